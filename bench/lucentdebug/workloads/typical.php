<?php
$hot = __DIR__ . "/../typical.php";
require $hot;
