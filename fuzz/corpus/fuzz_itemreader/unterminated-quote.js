var archivio = [
"1",
"Titolo senza fine,
"",
