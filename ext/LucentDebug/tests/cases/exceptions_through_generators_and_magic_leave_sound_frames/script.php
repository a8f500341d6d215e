<?php
function thrower($v) {
  if ($v == 2) throw new Exception("bad $v");
  return $v;
}
function gen() {
  foreach (array(1, 2, 3) as $v) {
    yield thrower($v);
  }
}
class Magic {
  function __get($name) { throw new Exception("no $name"); }
  function __destruct() { $here = 1; }
}
function inspect() {
  $local = "in inspect";
  return $local;
}
$top = "global value";
try {
  foreach (gen() as $x) { $seen = $x; }
} catch (Exception $e) {
  $caught = $e->getMessage();
}
try {
  $m = new Magic();
  $y = $m->missing;
} catch (Exception $e) {
  $caught2 = $e->getMessage();
}
unset($m, $e);
inspect();
echo "done top=$top\n";
