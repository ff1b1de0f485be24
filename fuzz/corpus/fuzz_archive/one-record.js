var archivio = [
"1",
"Titolo 1",
"",
"",
"0",
 ];
