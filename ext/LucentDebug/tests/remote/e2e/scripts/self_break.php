<?php
$before = "set";
$attached = ludbg_break();
echo "attached=", var_export($attached, true), "\n";
