// The FTP folders of a project task's documents.
#pragma once

#include "platform/base/String.h"

class CFtpConnection;

// Makes a folder of the server current: the folder text is split at "\" when it holds one, else
// at "/"; from the application's FTP start folder each non-empty part is entered in turn. False
// (without a message) when there is no connection or any change fails. Nothing is created.
bool SetTaskFtpFolder(CFtpConnection* connection, const CString& folder);
