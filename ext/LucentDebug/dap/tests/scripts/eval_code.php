<?php
eval('$fromEval = 41;
$fromEval++;');
echo "eval=$fromEval\n";
