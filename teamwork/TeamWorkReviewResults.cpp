#include "teamwork/TeamWorkReviewResults.h"

// The results dialogs are not part of this build yet; the command shows nothing.
void ShowDocumentReviewResults(const CString&, const CString&) {}
