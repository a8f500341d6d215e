<?php
// Object-oriented work: interfaces, closures, generators and exceptions.
interface Shape { public function area(): float; }
final class Rect implements Shape {
  public function __construct(private float $w, private float $h) {}
  public function area(): float { return $this->w * $this->h; }
}
final class Circle implements Shape {
  public function __construct(private float $r) {}
  public function area(): float { return 3.14159 * $this->r * $this->r; }
}
class TooSmall extends RuntimeException {}
function shapes(int $n): Generator {
  for ($i = 1; $i <= $n; $i++) {
    yield $i % 2 ? new Rect($i, $i + 1) : new Circle($i);
  }
}
function checked(Shape $s): float {
  $a = $s->area();
  if ($a < 10) throw new TooSmall("small");
  return $a;
}
$rounds = isset($argv[1]) ? (int)$argv[1] : 2000;
$scale = fn(float $a): float => $a / 100;
$total = 0.0;
$small = 0;
for ($r = 0; $r < $rounds; $r++) {
  foreach (shapes(20) as $shape) {
    try {
      $total += $scale(checked($shape));
    } catch (TooSmall $e) {
      $small++;
    }
  }
  $total = array_sum(array_map(fn($v) => $v * 0.5, [$total, $total]));
}
printf("total=%.3f small=%d\n", $total, $small);
function neverCalled($v) {
  $a = $v + 1;
  $b = $a * 2;
  $c = $b - 3;
  $d = $c / 4;
  $e = $d % 5;
  $f = [$a, $b];
  $g = count($f);
  $h = "$g";
  $i = strlen($h);
  return $a + $i;
}
