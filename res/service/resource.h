// Resource ids of TqTouchSvc, shared by the English and German resources. The message ids are
// defined in TqTouchSvc_msg.mc; the message compiler writes them to TqTouchSvc_msg.h in the build
// tree.
#ifndef TQTOUCHSVC_RESOURCE_H
#define TQTOUCHSVC_RESOURCE_H

#include "TqTouchSvc_msg.h"

#define IDI_SERVICE 101

#endif
