<?php
try {
  eval('$x = ;');
} catch (ParseError $e) {
  echo "caught\n";
}
include __DIR__ . "/broken_syntax.inc";
echo "not reached\n";
