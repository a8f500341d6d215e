<?php
$before = 1;
$value = $undefined + 1;
echo "after=$value\n";
