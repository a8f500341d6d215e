<?php
$a = 1;
$b = 2;
echo "end\n";
