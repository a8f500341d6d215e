<?php
function inner($v) {
  $w = $v + 1;
  return $w;
}
function outer($v) {
  return inner($v) * 10;
}
echo outer(1), "\n";
echo outer(2), "\n";
