<?php
class P { public $p = 1; protected $q = "two"; private $r = null; }
$arr = array("k" => 1, 5 => 2.5, "s" => "a\0b", "t" => true, "n" => null);
$o = new P();
$empty = array();
$nested = array("in" => array(1));
echo "end\n";
