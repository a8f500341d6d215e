<?php
$sum = 0;
for ($i = 0; $i < 100000; $i++) { $sum += $i % 7; }
echo "sum=$sum jit=", json_encode(opcache_get_status()["jit"]["on"] ?? null), "\n";
