<?php
function work($n) {
  $twice = $n * 2;
  return $twice + 1;
}
