<?php
// Typical application work for the debugger benchmark: objects with methods,
// arrays of records, string building and formatting. Argument: order count.
final class Money {
  private int $cents;

  public function __construct(int $cents) {
    $this->cents = $cents;
  }

  public function add(Money $other): Money {
    return new Money($this->cents + $other->cents);
  }

  public function times(int $factor): Money {
    return new Money($this->cents * $factor);
  }

  public function cents(): int {
    return $this->cents;
  }

  public function format(): string {
    return sprintf("%d.%02d EUR", intdiv($this->cents, 100), $this->cents % 100);
  }
}

class LineItem {
  public function __construct(public string $sku, public int $quantity, public Money $price) {
  }

  public function total(): Money {
    return $this->price->times($this->quantity);
  }
}

class Order {
  private array $items = [];

  public function __construct(private string $customer) {
  }

  public function add(LineItem $item): void {
    $this->items[] = $item;
  }

  public function total(): Money {
    $sum = new Money(0);
    foreach ($this->items as $item) {
      $sum = $sum->add($item->total());
    }
    return $sum;
  }

  public function summary(): string {
    $skus = array_map(fn(LineItem $item) => $item->sku, $this->items);
    sort($skus);
    return ucfirst($this->customer) . ": " . implode(",", $skus) . " = " . $this->total()->format();
  }

  public function discard(): void {
    $this->items = [];
    $this->customer = "";
    throw new LogicException("orders are never discarded here");
  }
}

class Catalog {
  private array $prices = [];

  public function __construct(int $size) {
    for ($i = 0; $i < $size; $i++) {
      $this->prices["sku-" . str_pad((string)$i, 4, "0", STR_PAD_LEFT)] = 100 + ($i * 37) % 900;
    }
  }

  public function sku(int $n): string {
    return "sku-" . str_pad((string)($n % count($this->prices)), 4, "0", STR_PAD_LEFT);
  }

  public function price(string $sku): Money {
    return new Money($this->prices[$sku] ?? 0);
  }
}

function slug(string $text): string {
  return trim(str_replace([" ", ":", ","], "-", strtolower($text)), "-");
}

function never_called(array $orders): int {
  $count = count($orders);
  $count += 1;
  return $count;
}

$orders = isset($argv[1]) ? (int)$argv[1] : 200000;
$catalog = new Catalog(250);
$customers = ["alice", "bob", "carol", "dave", "erin"];
$revenue = 0;
$lengths = [];
for ($n = 0; $n < $orders; $n++) {
  $order = new Order($customers[$n % count($customers)]);
  for ($k = 0; $k < 4; $k++) {
    $sku = $catalog->sku($n * 7 + $k * 13);
    $order->add(new LineItem($sku, 1 + ($n + $k) % 3, $catalog->price($sku)));
  }
  $revenue += $order->total()->cents();
  $summary = $order->summary();
  $key = substr(slug($summary), 0, 5);
  $lengths[$key] = ($lengths[$key] ?? 0) + strlen($summary);
  if ($n < 0) {
    $order->discard();
    $lengths = [];
  }
}
ksort($lengths);
echo $revenue, " ", count($lengths), " ", array_sum($lengths), "\n";
