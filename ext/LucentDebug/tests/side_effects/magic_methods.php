<?php
// Counts every call of its magic methods and reports them on standard error.
class Magic {
    public static $calls = [];
    public $plain = 1;
    private $secret = 'hidden';
    protected $guarded = ['in' => 2];
    public function __get($name) { self::$calls[] = "__get($name)"; return 42; }
    public function __isset($name) { self::$calls[] = "__isset($name)"; return true; }
    public function __toString(): string { self::$calls[] = "__toString"; return "magic"; }
    public function __debugInfo() { self::$calls[] = "__debugInfo"; return ['made' => 'up']; }
    public function method() {
        $local = 1;
        return $local;
    }
}
$m = new Magic();
$list = [$m];
$m->method();
fwrite(STDERR, "calls: " . implode(", ", Magic::$calls) . "\n");
