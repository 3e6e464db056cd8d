// Names under which the touch service is known to the system.
#pragma once

// Key name for the service control manager, and the program name in the usage text.
const char* const ServiceName = "TqTouchSvc";
// Shown in Services, named in every console message, and the event source.
const char* const ServiceDisplayName = "Touch Screen";
const char* const ServiceDescription =
    "Supports touch screen operations (monitor on/off handling etc.).";
