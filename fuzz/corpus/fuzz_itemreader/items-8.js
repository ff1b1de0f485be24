var archivio = [
"v0",
"v1",
"v2",
 ];
