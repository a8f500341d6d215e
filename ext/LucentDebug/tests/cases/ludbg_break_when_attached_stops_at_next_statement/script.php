<?php
$a = 1;
$r = ludbg_break();
$b = 2;
var_dump($r);
try {
  ludbg_break("h", 1, 3);
} catch (ArgumentCountError $e) {
  echo get_class($e), ": ", $e->getMessage(), "\n";
}
