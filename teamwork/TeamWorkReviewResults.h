// The review results of one work document, opened from the document lists of the work task
// state maintenance and the work-group document manager.
#pragma once

#include "platform/base/String.h"

void ShowDocumentReviewResults(const CString& fileId, const CString& fileName);
