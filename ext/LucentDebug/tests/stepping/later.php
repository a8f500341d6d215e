<?php
function later($n) {
  $thrice = $n * 3;
  return $thrice;
}
