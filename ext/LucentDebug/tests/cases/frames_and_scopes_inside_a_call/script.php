<?php
$a = 2;
function f($p) {
  static $calls = 0;
  $calls++;
  $local = $p + 1;
  return $local;
}




$r = f($a);
