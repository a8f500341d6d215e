<?php
function thrower($v) {
  if ($v == 2) throw new Exception("bad");
  return $v;
}
function gen() {
  foreach (array(1, 2, 3) as $v) {
    yield thrower($v);
  }
}
function inspect() {
  $local = 1;
  return $local;
}
$top = "before";
try {
  foreach (gen() as $x) { $seen = $x; }
} catch (Exception $e) {
  $caught = 1;
}
inspect();
echo "top=$top\n";
