<?php
class Keeper { public $v = 1; function __destruct() { echo "destructed\n"; } }
$k = new Keeper();
$a = 1;
echo "after ", $k->v, "\n";
