<?php
// 😀 𠀀 in the source too
$grin = "a😀b𠀀c";
$😀 = "named";
$plain = "é中";
echo "wide done\n";
