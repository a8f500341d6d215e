<?php
for ($i = 0; $i < 25; $i++) {
    usleep(20000);
}
$after = 1;
echo "end\n";
