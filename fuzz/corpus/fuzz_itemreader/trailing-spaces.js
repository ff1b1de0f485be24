var archivio = [
"1",
"a",
"b",
"c",
"1",
 ];
   