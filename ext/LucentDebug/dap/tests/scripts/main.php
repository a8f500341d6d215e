<?php
require __DIR__ . '/helper.php';
$total = 0;
for ($i = 1; $i <= 5; $i++) {
    $total = add($total, $i);
}
$nested = ['level1' => ['level2' => ['level3' => 'deep']], 'count' => 7];
echo "total=$total\n";
echo "done\n";
