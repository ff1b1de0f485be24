var archivio = [
"1",
"Il "Tramonto", lento",
"",
"",
"0",
 ];
