var archivio = [
"v0",
"v1",
"v2",
"v3",
"v4",
"v5",
"v6",
 ];

