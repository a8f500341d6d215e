<?php
class Counter {
    private $count = 2;
    public function add($step) {
        $total = $this->count + $step;
        return $total;
    }
}
$base = 10;
$shared = [1];
$sum = function ($x) use ($base, &$shared) {
    static $calls = 0;
    $calls++;
    return $x + $base;
};
$sum(1);
(new Counter())->add(3);
$arrow = fn($y) => $y + $base;
$arrow(4);
