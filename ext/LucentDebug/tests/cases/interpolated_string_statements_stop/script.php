<?php
$n = "W";
$m = "Hello $n";
echo "Hi $n\n";
$x = "$n\n";
print "p $n\n";
$h = <<<EOT
heredoc $n
EOT;
$b = `echo sh $n`;
echo "end\n";
