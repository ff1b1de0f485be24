var archivio = [
"1",
"Primo",
"Bach, J. S.",
"fuga",
"",
"2",
"Secondo",
"",
"",
"4",
 ];
