/* The host's own cost of statement and call markers: a Zend extension that
 * switches on extended compiler information and registers hooks doing
 * nothing. The debugger's benchmark compares against it. */
#include "php.h"
#include "zend_extensions.h"

static void empty_statement(zend_execute_data *frame) { (void)frame; }
static void empty_call(zend_execute_data *frame) { (void)frame; }
static void activate(void) { CG(compiler_options) |= ZEND_COMPILE_EXTENDED_INFO; }
static int startup(zend_extension *extension) { (void)extension; return SUCCESS; }

ZEND_DLEXPORT zend_extension_version_info extension_version_info = {ZEND_EXTENSION_API_NO,
                                                                    ZEND_EXTENSION_BUILD_ID};

ZEND_DLEXPORT zend_extension zend_extension_entry = {
    "empty hooks", "1", "", "", "",
    startup, NULL, activate, NULL, NULL, NULL,
    empty_statement, empty_call, empty_call,
    NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, -1};
