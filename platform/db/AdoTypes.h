// Constants and the reference-counted object pointer of the data access layer. The constant
// names and values are those of the data access objects the dialog code is written against.
#pragma once

#include "platform/db/DbError.h"

#include <cstddef>
#include <memory>

enum CursorTypeEnum : long {
    adOpenUnspecified = -1,
    adOpenForwardOnly = 0,
    adOpenKeyset = 1,
    adOpenDynamic = 2,
    adOpenStatic = 3,
};

enum LockTypeEnum : long {
    adLockUnspecified = -1,
    adLockReadOnly = 1,
    adLockPessimistic = 2,
    adLockOptimistic = 3,
    adLockBatchOptimistic = 4,
};

enum CommandTypeEnum : long {
    adCmdUnspecified = -1,
    adCmdText = 1,
    adCmdTable = 2,
    adCmdStoredProc = 4,
    adCmdUnknown = 8,
};

enum ExecuteOptionEnum : long {
    adOptionUnspecified = -1,
    adExecuteNoRecords = 0x80,
};

enum ConnectOptionEnum : long {
    adConnectUnspecified = -1,
};

enum ObjectStateEnum : long {
    adStateClosed = 0,
    adStateOpen = 1,
};

enum DataTypeEnum : long {
    adEmpty = 0,
    adInteger = 3,
    adDouble = 5,
    adBSTR = 8,
    adBigInt = 20,
    adBinary = 128,
    adChar = 129,
    adWChar = 130,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarWChar = 202,
    adLongVarWChar = 203,
    adVarBinary = 204,
    adLongVarBinary = 205,
};

enum ParameterDirectionEnum : long {
    adParamUnknown = 0,
    adParamInput = 1,
};

enum EditModeEnum : long {
    adEditNone = 0,
    adEditInProgress = 1,
    adEditAdd = 2,
};

// A reference-counted pointer to one data access object, as the dialog code holds them:
// CreateInstance() makes a new object, -> reaches it (an empty pointer throws E_POINTER),
// copies share the object, Release() or "= nullptr" drops this reference.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    explicit ComPtr(std::shared_ptr<T> object) : m_object(std::move(object)) {}

    HRESULT CreateInstance() {
        m_object = std::make_shared<T>();
        return S_OK;
    }
    void Release() { m_object.reset(); }
    ComPtr& operator=(std::nullptr_t) {
        m_object.reset();
        return *this;
    }

    T* operator->() const {
        if (!m_object)
            throw _com_error(E_POINTER, "Invalid pointer");
        return m_object.get();
    }
    T& operator*() const { return *operator->(); }
    T* GetInterfacePtr() const { return m_object.get(); }
    explicit operator bool() const { return m_object != nullptr; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) { return !a.m_object; }
    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.m_object == b.m_object; }

    const std::shared_ptr<T>& Shared() const { return m_object; }

private:
    std::shared_ptr<T> m_object;
};
