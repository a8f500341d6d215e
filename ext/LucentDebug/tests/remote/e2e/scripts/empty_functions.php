<?php
function nothing() {}
class Box {
  function open($x) {
  }
}
nothing();
ludbg_break();
nothing();
(new Box)->open(1);
echo "done\n";
