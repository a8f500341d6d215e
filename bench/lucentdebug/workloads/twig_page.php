<?php
// A page rendered by Twig (Debian's php-twig) from an in-memory template.
require_once "/usr/share/php/Twig/autoload.php";
$pages = isset($argv[1]) ? (int)$argv[1] : 200;
$loader = new \Twig\Loader\ArrayLoader([
  "page.html" => "<h1>{{ title|upper }}</h1><ul>{% for item in items %}"
               . "<li class=\"{{ cycle(['odd', 'even'], loop.index0) }}\">{{ item.name|e }}: "
               . "{{ item.price|number_format(2) }}{% if item.tags %} [{{ item.tags|join(', ') }}]"
               . "{% endif %}</li>{% endfor %}</ul><p>{{ items|length }} items</p>",
]);
$twig = new \Twig\Environment($loader, ["cache" => false]);
$items = [];
for ($i = 0; $i < 40; $i++) {
  $items[] = ["name" => "item <$i>", "price" => $i * 1.25, "tags" => $i % 3 ? ["a", "b$i"] : []];
}
$length = 0;
for ($p = 0; $p < $pages; $p++) {
  $length += strlen($twig->render("page.html", ["title" => "page $p", "items" => $items]));
}
echo "rendered $pages pages, $length bytes\n";
function neverCalled($v) {
  $a = $v + 1;
  $b = $a * 2;
  $c = $b - 3;
  $d = $c / 4;
  $e = $d % 5;
  $f = [$a, $b];
  $g = count($f);
  $h = "$g";
  $i = strlen($h);
  return $a + $i;
}
