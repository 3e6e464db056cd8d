// Simulated touch driver for tests. It serves \\.\TqTouch<n> for the indices named in the
// service's Simulation key and answers the public control codes from state that tests set through
// the private ones. Loaded by Wine's winedevice as the kernel service TqTouch.
#include <ntddk.h>

#include "sim_control.h"

#define SIM_NAME_CHARS 256
#define SIM_DEFAULT_DEVICES 1u

// Values read with a 4-byte query: anything longer or shorter counts as absent.
typedef struct {
    KEY_VALUE_PARTIAL_INFORMATION header;
    UCHAR rest[sizeof(ULONG)];
} SimValueBuffer;

typedef struct {
    ULONG index;
    WCHAR linkBuffer[32];
    UNICODE_STRING link;
    struct TouchRawPoint point;
    struct TouchDeviceInfo info;
    ULONG faultCount[SimCodeCount];
    NTSTATUS faultStatus[SimCodeCount];
    IRP* held; // a request that hangs, answered when the driver unloads
    struct SimState state;
} SimDevice;

typedef struct {
    ULONG paramsPresent;
    LONG params[SimParamCount];
    ULONG recordPresent;
    LONG record[SIM_RECORD_VALUES];
} SimSnapshot;

// Requests may arrive on several threads of the device host, and sequence numbers must be unique.
static FAST_MUTEX StateLock;
static ULONG Sequence;
static WCHAR ServiceKeyBuffer[SIM_NAME_CHARS];
static UNICODE_STRING ServiceKey;

NTSTATUS NTAPI DriverEntry(DRIVER_OBJECT* driver, UNICODE_STRING* registryPath);

static void InitBuffer(UNICODE_STRING* text, WCHAR* buffer, USHORT chars)
{
    text->Buffer = buffer;
    text->Length = 0;
    text->MaximumLength = (USHORT)(chars * sizeof(WCHAR));
}

// Builds prefix + middle + index (when not negative) + suffix; fails rather than truncating.
static NTSTATUS BuildName(UNICODE_STRING* out, const UNICODE_STRING* prefix, const WCHAR* middle,
                          LONG index, const WCHAR* suffix)
{
    NTSTATUS status = RtlAppendUnicodeStringToString(out, prefix);
    if (NT_SUCCESS(status) && middle)
        status = RtlAppendUnicodeToString(out, middle);
    if (NT_SUCCESS(status) && index >= 0) {
        WCHAR digits[12];
        UNICODE_STRING number;
        InitBuffer(&number, digits, 12);
        status = RtlIntegerToUnicodeString((ULONG)index, 10, &number);
        if (NT_SUCCESS(status))
            status = RtlAppendUnicodeStringToString(out, &number);
    }
    if (NT_SUCCESS(status) && suffix)
        status = RtlAppendUnicodeToString(out, suffix);
    return status;
}

static NTSTATUS OpenKey(const UNICODE_STRING* path, HANDLE* key)
{
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, (PUNICODE_STRING)path,
                               OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    return ZwOpenKey(key, KEY_QUERY_VALUE, &attributes);
}

static BOOLEAN QueryFourBytes(HANDLE key, const WCHAR* name, LONG* value)
{
    UNICODE_STRING valueName;
    SimValueBuffer buffer;
    ULONG length = 0;
    RtlInitUnicodeString(&valueName, name);
    if (!NT_SUCCESS(ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, &buffer,
                                    sizeof(buffer), &length)))
        return FALSE;
    if (buffer.header.DataLength != sizeof(ULONG))
        return FALSE;
    RtlCopyMemory(value, buffer.header.Data, sizeof(ULONG));
    return TRUE;
}

// Reads the named values of one key below the service key; a missing key leaves all absent.
static ULONG ReadValues(const WCHAR* subkey, LONG index, const WCHAR* suffix,
                        const WCHAR* const* names, ULONG count, LONG* values)
{
    WCHAR pathBuffer[SIM_NAME_CHARS];
    UNICODE_STRING path;
    HANDLE key;
    ULONG present = 0;
    ULONG i;
    InitBuffer(&path, pathBuffer, SIM_NAME_CHARS);
    if (!NT_SUCCESS(BuildName(&path, &ServiceKey, subkey, index, suffix)))
        return 0;
    if (!NT_SUCCESS(OpenKey(&path, &key)))
        return 0;
    for (i = 0; i < count; ++i) {
        if (QueryFourBytes(key, names[i], &values[i]))
            present |= 1u << i;
    }
    ZwClose(key);
    return present;
}

static void ReadSnapshot(ULONG index, SimSnapshot* snapshot)
{
    RtlZeroMemory(snapshot, sizeof(*snapshot));
    snapshot->paramsPresent =
        ReadValues(L"\\Parameters", -1, NULL, SimParamNames, SimParamCount, snapshot->params);
    snapshot->recordPresent = ReadValues(L"\\Parameters\\Screen", (LONG)index, L"\\Calibration",
                                         SimRecordNames, SIM_RECORD_VALUES, snapshot->record);
}

static ULONG ReadDeviceMask(void)
{
    LONG mask = (LONG)SIM_DEFAULT_DEVICES;
    const WCHAR* const names[1] = {L"Devices"};
    ReadValues(L"\\Simulation", -1, NULL, names, 1, &mask);
    return (ULONG)mask & ((1u << TQTOUCH_MAX_DEVICES) - 1);
}

static NTSTATUS Complete(IRP* irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = NT_SUCCESS(status) ? information : 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static BOOLEAN PublicCode(ULONG code, enum SimCode* simCode)
{
    switch (code) {
    case IOCTL_TQTOUCH_GET_RAW_POINT:
        *simCode = SimGetRawPoint;
        return TRUE;
    case IOCTL_TQTOUCH_RELOAD_PARAMETERS:
        *simCode = SimReload;
        return TRUE;
    case IOCTL_TQTOUCH_GET_DEVICE_INFO:
        *simCode = SimGetDeviceInfo;
        return TRUE;
    case IOCTL_TQTOUCH_ENABLE_CLICKS:
        *simCode = SimEnableClicks;
        return TRUE;
    case IOCTL_TQTOUCH_DISABLE_CLICKS:
        *simCode = SimDisableClicks;
        return TRUE;
    default:
        return FALSE;
    }
}

// Counts the request, gives it a sequence number and consumes an injected fault if one waits.
static NTSTATUS Receive(SimDevice* device, enum SimCode code, BOOLEAN* faulted)
{
    NTSTATUS status = STATUS_SUCCESS;
    *faulted = FALSE;
    ExAcquireFastMutex(&StateLock);
    ++device->state.requests[code];
    device->state.lastSequence[code] = ++Sequence;
    if (device->faultCount[code]) {
        --device->faultCount[code];
        status = device->faultStatus[code];
        *faulted = TRUE;
    }
    ExReleaseFastMutex(&StateLock);
    return status;
}

// Copies a device record to the caller under the lock; a short buffer fails.
static NTSTATUS CopyOut(void* buffer, ULONG outSize, const void* record, ULONG size,
                        ULONG_PTR* returned)
{
    if (outSize < size)
        return STATUS_BUFFER_TOO_SMALL;
    ExAcquireFastMutex(&StateLock);
    RtlCopyMemory(buffer, record, size);
    ExReleaseFastMutex(&StateLock);
    *returned = size;
    return STATUS_SUCCESS;
}

// Takes a record from the caller under the lock; the input must be exactly its size.
static NTSTATUS CopyIn(void* record, ULONG size, const void* buffer, ULONG inSize)
{
    if (inSize != size)
        return STATUS_INVALID_PARAMETER;
    ExAcquireFastMutex(&StateLock);
    RtlCopyMemory(record, buffer, size);
    ExReleaseFastMutex(&StateLock);
    return STATUS_SUCCESS;
}

static NTSTATUS HandlePublic(SimDevice* device, enum SimCode code, void* buffer, ULONG outSize,
                             ULONG_PTR* returned)
{
    SimSnapshot snapshot;
    BOOLEAN faulted;
    NTSTATUS status = Receive(device, code, &faulted);
    // A fault with a success status answers with nothing returned; STATUS_PENDING hangs.
    if (faulted)
        return status;
    switch (code) {
    case SimGetRawPoint:
        return CopyOut(buffer, outSize, &device->point, sizeof(device->point), returned);
    case SimGetDeviceInfo:
        return CopyOut(buffer, outSize, &device->info, sizeof(device->info), returned);
    case SimReload:
        // The registry is read outside the lock: queries must run at passive level.
        ReadSnapshot(device->index, &snapshot);
        ExAcquireFastMutex(&StateLock);
        ++device->state.reloads;
        device->state.paramsPresent = snapshot.paramsPresent;
        RtlCopyMemory(device->state.params, snapshot.params, sizeof(snapshot.params));
        device->state.recordPresent = snapshot.recordPresent;
        RtlCopyMemory(device->state.record, snapshot.record, sizeof(snapshot.record));
        ExReleaseFastMutex(&StateLock);
        return STATUS_SUCCESS;
    case SimEnableClicks:
    case SimDisableClicks:
        ExAcquireFastMutex(&StateLock);
        device->state.clicksEnabled = code == SimEnableClicks;
        ExReleaseFastMutex(&StateLock);
        return STATUS_SUCCESS;
    default:
        return STATUS_INVALID_DEVICE_REQUEST;
    }
}

static NTSTATUS HandlePrivate(SimDevice* device, ULONG code, void* buffer, ULONG inSize,
                              ULONG outSize, ULONG_PTR* returned)
{
    ULONG i;
    switch (code) {
    case IOCTL_TQSIM_SET_RAW_POINT:
        return CopyIn(&device->point, sizeof(device->point), buffer, inSize);
    case IOCTL_TQSIM_SET_DEVICE_INFO:
        return CopyIn(&device->info, sizeof(device->info), buffer, inSize);
    case IOCTL_TQSIM_FAIL_NEXT: {
        struct SimFault fault;
        if (inSize != sizeof(fault))
            return STATUS_INVALID_PARAMETER;
        RtlCopyMemory(&fault, buffer, sizeof(fault));
        if (fault.code >= SimCodeCount)
            return STATUS_INVALID_PARAMETER;
        ExAcquireFastMutex(&StateLock);
        device->faultCount[fault.code] = fault.count;
        device->faultStatus[fault.code] = (NTSTATUS)fault.status;
        ExReleaseFastMutex(&StateLock);
        return STATUS_SUCCESS;
    }
    case IOCTL_TQSIM_READ_STATE:
        return CopyOut(buffer, outSize, &device->state, sizeof(device->state), returned);
    case IOCTL_TQSIM_RESET_COUNTERS:
        ExAcquireFastMutex(&StateLock);
        for (i = 0; i < SimCodeCount; ++i) {
            device->state.requests[i] = 0;
            device->state.lastSequence[i] = 0;
        }
        device->state.reloads = 0;
        ExReleaseFastMutex(&StateLock);
        return STATUS_SUCCESS;
    default:
        return STATUS_INVALID_DEVICE_REQUEST;
    }
}

static NTSTATUS NTAPI SimDispatchControl(DEVICE_OBJECT* object, IRP* irp)
{
    SimDevice* device = (SimDevice*)object->DeviceExtension;
    IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG inSize = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outSize = stack->Parameters.DeviceIoControl.OutputBufferLength;
    void* buffer = irp->AssociatedIrp.SystemBuffer;
    ULONG_PTR returned = 0;
    enum SimCode simCode;
    NTSTATUS status;
    if (PublicCode(code, &simCode)) {
        status = HandlePublic(device, simCode, buffer, outSize, &returned);
        if (status == STATUS_PENDING &&
            !InterlockedCompareExchangePointer((void**)&device->held, irp, NULL)) {
            IoMarkIrpPending(irp);
            return STATUS_PENDING;
        }
        if (status == STATUS_PENDING)
            status = STATUS_DEVICE_BUSY; // one at a time
    } else {
        status = HandlePrivate(device, code, buffer, inSize, outSize, &returned);
    }
    return Complete(irp, status, returned);
}

static NTSTATUS NTAPI SimDispatchOpenClose(DEVICE_OBJECT* object, IRP* irp)
{
    (void)object;
    return Complete(irp, STATUS_SUCCESS, 0);
}

static void NTAPI SimUnload(DRIVER_OBJECT* driver)
{
    DEVICE_OBJECT* object = driver->DeviceObject;
    while (object) {
        DEVICE_OBJECT* next = object->NextDevice;
        SimDevice* device = (SimDevice*)object->DeviceExtension;
        if (device->held)
            Complete(device->held, STATUS_CANCELLED, 0);
        IoDeleteSymbolicLink(&device->link);
        IoDeleteDevice(object);
        object = next;
    }
}

static NTSTATUS CreateSimDevice(DRIVER_OBJECT* driver, ULONG index)
{
    static const UNICODE_STRING empty = {0, 0, NULL};
    WCHAR nameBuffer[32];
    UNICODE_STRING name;
    DEVICE_OBJECT* object;
    SimDevice* device;
    NTSTATUS status;
    InitBuffer(&name, nameBuffer, 32);
    status = BuildName(&name, &empty, L"\\Device\\TqTouch", (LONG)index, NULL);
    if (!NT_SUCCESS(status))
        return status;
    status =
        IoCreateDevice(driver, sizeof(SimDevice), &name, TQTOUCH_DEVICE_TYPE, 0, FALSE, &object);
    if (!NT_SUCCESS(status))
        return status;
    device = (SimDevice*)object->DeviceExtension;
    RtlZeroMemory(device, sizeof(*device));
    device->index = index;
    device->state.index = index;
    device->state.clicksEnabled = 1;
    device->info.controllerType = ControllerStandard;
    device->info.connection = ConnectionSerial;
    device->info.firmwareMajor = 1;
    InitBuffer(&device->link, device->linkBuffer, 32);
    status = BuildName(&device->link, &empty, L"\\DosDevices\\TqTouch", (LONG)index, NULL);
    if (NT_SUCCESS(status))
        status = IoCreateSymbolicLink(&device->link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(object);
        return status;
    }
    object->Flags |= DO_BUFFERED_IO;
    object->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI DriverEntry(DRIVER_OBJECT* driver, UNICODE_STRING* registryPath)
{
    ULONG mask;
    ULONG index;
    NTSTATUS status;
    ExInitializeFastMutex(&StateLock);
    InitBuffer(&ServiceKey, ServiceKeyBuffer, SIM_NAME_CHARS);
    status = RtlAppendUnicodeStringToString(&ServiceKey, registryPath);
    if (!NT_SUCCESS(status))
        return status;
    driver->MajorFunction[IRP_MJ_CREATE] = SimDispatchOpenClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = SimDispatchOpenClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = SimDispatchOpenClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = SimDispatchControl;
    driver->DriverUnload = SimUnload;
    mask = ReadDeviceMask();
    for (index = 0; index < TQTOUCH_MAX_DEVICES; ++index) {
        if (!(mask & (1u << index)))
            continue;
        status = CreateSimDevice(driver, index);
        if (!NT_SUCCESS(status)) {
            SimUnload(driver);
            return status;
        }
    }
    return STATUS_SUCCESS;
}
