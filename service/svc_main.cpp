// TqTouchSvc: the touch service, its installer and its debug console.
#include "service_host.h"

int main(int argc, char** argv)
{
    return TqTouchSvcMain(argc, argv);
}
