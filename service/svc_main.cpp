// TqTouchSvc: the touch service, its installer and its debug console.
#include "service_host.h"
#include "tq_startup.h"

int main(int argc, char** argv)
{
    RestrictLibrarySearch();
    return TqTouchSvcMain(argc, argv);
}
