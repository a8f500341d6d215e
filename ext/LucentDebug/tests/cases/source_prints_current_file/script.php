<?php
$a = 1;
echo "end\n";
