<?php
require __DIR__ . "/other.php";
for ($i = 0; $i < 2000; $i++) { $sum = ($sum ?? 0) + $i; }
echo "sum=$sum\n";
