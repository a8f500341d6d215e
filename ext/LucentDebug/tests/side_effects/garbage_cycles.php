<?php
// Builds cycles, drops them and reports what the collector frees.
function build() {
    $a = new stdClass();
    $a->self = $a;
    $b = ['x' => 1];
    $b['me'] = &$b;
    $keep = 1;
    return $keep;
}
$a = new stdClass();
$a->self = $a;
$a->list = [$a];
$b = [new stdClass()];
$b[0]->back = &$b;
build();
fwrite(STDERR, "collected after the call: " . gc_collect_cycles() . "\n");
$stop = 1;
unset($a, $b);
fwrite(STDERR, "collected: " . gc_collect_cycles() . "\n");
