<?php
class Noisy {
  function __toString() { $s = "noisy"; return $s; }
  function __destruct() { $gone = 1; }
}
set_error_handler(function ($no, $str) { $handled = $str; return true; });
register_shutdown_function(function () {
  $inShutdown = 1;
});
$g = "top";
$o = new Noisy();
echo $o, "\n";
trigger_error("note", E_USER_NOTICE);
unset($o);
function stops() {
  $local = 1;
  exit(0);
}
function gen() { yield 1; stops(); yield 2; }
foreach (gen() as $v) { $last = $v; }
