<?php
$started = 1;
shell_exec("sleep 6 > /dev/null 2>&1 &");
echo "spawned\n";
