<?php
function fail($why) {
  throw new RuntimeException($why);
}
$a = 1;
fail("never caught");
