<x:stylesheet xmlns:x="http://www.w3.org/1999/XSL/Transform">
  <x:choose/>
  <x:output indent="maybe"/>
  <x:output extra="1"/>
  <loose/>
</x:stylesheet>
