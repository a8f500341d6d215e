<?php
function visit($i) {
    $seen = $i * 10;
    return $seen;
}
$sum = 0;
for ($i = 1; $i <= 4; $i++) {
    $sum += visit($i);
}
echo "sum=$sum\n";
