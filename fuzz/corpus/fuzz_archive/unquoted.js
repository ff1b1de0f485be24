var archivio = [
1,
Titolo,
Autore,
tag,
3,
 ];
