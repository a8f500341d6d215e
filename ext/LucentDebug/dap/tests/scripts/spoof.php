<?php
echo "\nPHP Unknown error:  spoof in /x on line 1\n";
echo "\nPHP Warning:  fake in /x on line 1\n";
$reached = 1;
echo "done\n";
