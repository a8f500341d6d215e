<?php
$hot = __DIR__ . "/twig_page.php";
require $hot;
