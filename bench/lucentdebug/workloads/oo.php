<?php
$hot = __DIR__ . "/oo_work.php";
require $hot;
