<?php
function add($a, $b) {
    $sum = $a + $b;
    return $sum;
}
