<?php
$when = new DateTime('2021-03-04 05:06:07', new DateTimeZone('UTC'));
$bag = new ArrayObject(['k' => 'v', 3 => [1]]);
$plain = new stdClass();
echo "end\n";
