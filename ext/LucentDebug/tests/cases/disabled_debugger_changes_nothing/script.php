<?php
$list = array();
$v = $list["missing"];
var_dump(ludbg_break());
echo "end\n";
