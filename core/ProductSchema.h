// What a product database has of the schema's speed-ups for change tasks: the stamps of the writes
// that decide their review levels (on PostgreSQL table ECOTaskStamp and the triggers that write it;
// SQLite needs nothing of the schema for them) and the
// indexes of the review steps waiting for the other documents of a change task. A database made by
// an earlier version lacks them: change-task decisions then ask the tables, which is right but
// slower, until scripts/upgrade-database adds them (with, on PostgreSQL, the sequences that number
// new keys and the function that folds case as the client does).
#pragma once

#include "platform/db/Ado.h"

// Whether both indexes of the waiting steps are there.
bool WaitingStepsIndexed(const _ConnectionPtr& connection);

// Says once per process on standard error, naming scripts/upgrade-database, when the product
// database just opened lacks either, or (PostgreSQL) the key sequences or the case-folding
// function; asks no more once it has said so. Quiet on engines the schema
// is not made for (a SQL Server or Oracle database) and when the question cannot be read.
void SayWhenProductSchemaIsOld(const _ConnectionPtr& connection);
