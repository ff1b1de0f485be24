var archivio = [
"1",
"Sonata, op. 27",
"Beethoven, Ludwig van",
"piano, sonata",
"7",
 ];
