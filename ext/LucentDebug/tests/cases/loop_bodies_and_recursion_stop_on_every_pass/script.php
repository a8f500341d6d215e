<?php
function down($n) { return $n > 0 ? down($n - 1) + 1 : 0; }
$s = 0;
foreach (array(1, 2, 3) as $v) $s += $v;
$i = 0;
while ($i < 3) $i++;
do { $i--; } while ($i > 0);
for ($k = 0; $k < 2; $k++) { $s++; $s++; }
$d = down(2);
echo "s=$s d=$d\n";
