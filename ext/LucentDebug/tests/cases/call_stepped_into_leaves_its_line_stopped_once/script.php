<?php
class Greeter {
  function greet($n) {
    return "hi $n";
  }
}
$g = new Greeter();
foreach (["a", "b"] as $n) {
  echo $g->greet($n), "\n";
}
echo "end\n";
