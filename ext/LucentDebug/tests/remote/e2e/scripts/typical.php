<?php
function twice($n) {
    $result = $n * 2;
    return $result;
}
$count = 3;
$name = "lucent";
$list = array("k" => 1, 5 => 2);
$count = twice($count);
echo "count=$count name=$name\n";
