<?php
class Account {
    private $id = 7;
    protected $owner = ['name' => 'Ann'];
    public $note = 'n';
}
class Savings extends Account {
    private $id = 'S-1';
    private static $rate = 0.5;
}
$acct = new Savings();
$raw = (object) ['a b' => 1, '12' => 2];
echo "end\n";
