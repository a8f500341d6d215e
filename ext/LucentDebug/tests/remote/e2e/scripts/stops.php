<?php
namespace App\Model;

interface Marked {}
class NotFound extends \RuntimeException implements Marked {}

class User {
    public $name = "ann";
    protected $age = 7;
    private $secret = "s";
    public static $count = 2;
    private static $hidden = "h";
    public function __construct() { $this->name = "bob"; }
    public function save($n) {
        $x = $n + 1;
        return $x;
    }
    public static function make() {
        return new User();
    }
}

function find($id) {
    if ($id > 1) {
        throw new NotFound("no user $id");
    }
    return $id;
}

$u = User::make();
$u->save(1);
try {
    find(2);
} catch (\LogicException $e) {
    echo "logic\n";
} catch (NotFound $e) {
    echo "caught\n";
}
trigger_error("told", E_USER_NOTICE);
$big = range(0, 9999);
$bad = "bad\xff\xfe(bytes";
echo "before\n";
find(3);
echo "never\n";
