dnl lucentdebug for phpize: phpize && ./configure && make && make install.
dnl The module's sources are listed once, in sources.txt, which the CMake build reads too.

PHP_ARG_ENABLE([lucentdebug],
  [whether to enable the lucentdebug debugger],
  [AS_HELP_STRING([--enable-lucentdebug], [Enable the lucentdebug debugger])],
  [yes])

PHP_ARG_WITH([xmlrpc-c],
  [for the xmlrpc-c libraries],
  [AS_HELP_STRING([[--with-xmlrpc-c[=DIR]]], [lucentdebug: prefix of xmlrpc-c (default /usr)])],
  [/usr],
  [no])

if test "$PHP_LUCENTDEBUG" != "no"; then
  PHP_REQUIRE_CXX()

  if test "$PHP_XMLRPC_C" = "yes" || test -z "$PHP_XMLRPC_C"; then
    PHP_XMLRPC_C=/usr
  fi
  AC_MSG_CHECKING([for xmlrpc-c/base.h])
  if test -r "$PHP_XMLRPC_C/include/xmlrpc-c/base.h"; then
    AC_MSG_RESULT([$PHP_XMLRPC_C/include])
  else
    AC_MSG_RESULT([not found])
    AC_MSG_ERROR([lucentdebug needs xmlrpc-c with its Abyss server (Debian: libxmlrpc-core-c3-dev)])
  fi
  PHP_ADD_INCLUDE([$PHP_XMLRPC_C/include])
  for library in xmlrpc_server_abyss xmlrpc_server xmlrpc_abyss xmlrpc xmlrpc_xmlparse \
                 xmlrpc_xmltok xmlrpc_util pthread; do
    PHP_ADD_LIBRARY([$library], [1], [LUCENTDEBUG_SHARED_LIBADD])
  done
  PHP_SUBST([LUCENTDEBUG_SHARED_LIBADD])

  dnl phpize builds in this folder; a php-src tree has it under ext/.
  lucentdebug_dir=$abs_srcdir
  if test ! -r "$lucentdebug_dir/sources.txt"; then
    lucentdebug_dir=$abs_srcdir/ext/lucentdebug
  fi
  lucentdebug_sources=`cat "$lucentdebug_dir/sources.txt"`
  for folder in common engine console remote; do
    PHP_ADD_INCLUDE([$lucentdebug_dir/$folder])
  done
  PHP_ADD_INCLUDE([$lucentdebug_dir])
  dnl The project's UTF-8 helpers, header-only, beside the protocol servers' layer.
  PHP_ADD_INCLUDE([$lucentdebug_dir/../../protocol/src])

  dnl Only the loader's entry points leave the module, as in the CMake build.
  PHP_NEW_EXTENSION([lucentdebug], [$lucentdebug_sources], [$ext_shared], [],
    [-std=c++17 -fvisibility=hidden -fno-semantic-interposition \
     -DZEND_ENABLE_STATIC_TSRMLS_CACHE=1],
    [cxx])
  for folder in common engine console remote; do
    PHP_ADD_BUILD_DIR([$ext_builddir/$folder])
  done
fi
