<?php
namespace App\Model;

class User {
    public static $count = 0;
    private $name;
    protected $roles = ['admin'];
    public $id;
    public function __construct($name, $id) { $this->name = $name; $this->id = $id; self::$count++; }
    public function save() {
        return strlen($this->name);
    }
}

class NotFound extends \RuntimeException {}

function lookup($id) {
    if ($id > 1) {
        throw new NotFound("no user $id");
    }
    return new User("ann", $id);
}

function fail() {
    throw new \LogicException("bad state");
}

$user = lookup(1);
$list = range(1, 10000);
$bytes = "a\xffb";
$user->save();
try {
    lookup(2);
} catch (NotFound $e) {
    echo "caught\n";
}
fail();
