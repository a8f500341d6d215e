<?php
// Loops until a breakpoint set while it runs stops it and the loop is ended.
$hit = false;
echo "looping\n";
while (!$hit) {
    usleep(5000);
    $turn = 1;
}
echo "left the loop\n";
