<?php
$hot = __DIR__ . "/../cpu.php";
require $hot;
