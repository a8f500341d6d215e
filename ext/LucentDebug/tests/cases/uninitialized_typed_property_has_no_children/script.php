<?php
class Pending { public int $id; }
class Partly { public int $id; public ?string $label = null; }
$pending = new Pending();
$partly = new Partly();
echo "end\n";
