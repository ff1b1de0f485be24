var archivio = [
"1",
"Perchè € ŁÁ",
"🎵",
"",
"0",
 ];
