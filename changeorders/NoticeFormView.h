// Opens a stored change order read-only in its own form.
#pragma once

#include "platform/base/String.h"

// The modification notice form for the group "修改单", the change notice form for any other.
void ShowNoticeReadOnly(const CString& group, const CString& number);
