<?php
$started = 1;
usleep(400000);
$finished = 2;
echo "finished\n";
