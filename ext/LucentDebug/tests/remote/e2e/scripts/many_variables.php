<?php
for ($i = 0; $i < 20000; $i++) {
    ${"v$i"} = "value $i";
}
echo "made $i\n";
