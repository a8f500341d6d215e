<?php
function fail() {
  throw new RuntimeException("no");
}
function middle() {
  fail();
}
try {
  middle();
} catch (RuntimeException $e) {
  $caught = 1;
}
echo "end\n";
