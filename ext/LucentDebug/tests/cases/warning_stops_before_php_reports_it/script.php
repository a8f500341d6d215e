<?php
$list = array();
$v = $list["missing"];
function &notAVariable() { return 1; }
$r = &notAVariable();
trigger_error("told", E_USER_NOTICE);
echo "end\n";
