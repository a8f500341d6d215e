<?php
declare(unknown_directive=1);
$a = 1;
echo "end\n";
