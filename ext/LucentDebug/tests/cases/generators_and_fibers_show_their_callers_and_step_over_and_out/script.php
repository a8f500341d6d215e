<?php
function numbers() {
  $n = 1;
  yield $n;
  $n = 2;
  yield $n;
}
function runFiber() {
  $fiber = new Fiber(function ($start) {
    $inFiber = $start;
    $got = Fiber::suspend($inFiber + 1);
    $inFiber = $got;
    return $inFiber;
  });
  $first = $fiber->start(10);
  $fiber->resume(20);
  return $first;
}
$total = 0;
foreach (numbers() as $v) {
  $total += $v;
}
$first = runFiber();
echo "total=$total first=$first\n";
