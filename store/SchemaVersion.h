#pragma once

class TSQLiteDatabase;

// The version of the database layout, kept in "PRAGMA user_version", and the
// steps that bring a file of an earlier version up to it. Every change of the
// layout after the first is one step here, in order, so a file made by any
// earlier version of the program gains what it lacks and keeps every row.
//
// Version 0: the tables of the first version (urls, inns, url_inns,
// pending_followups). Version 1: urls gains the nullable columns
// customer_name and customer_inn; the table reported_links (url, run_stamp)
// tells which report stage last wrote a contract's line. Version 2: the table
// runs, the history of runs (store/RunHistory.h).
//
// Runs on the thread that owns the connection, right after the tables are
// created (CreateSchema). Throws EGeneralError with a Russian message, writing
// nothing, for a file whose version is newer than this program knows: its
// layout may mean something this program would break.
inline constexpr int kSchemaVersion = 2;

void MigrateSchema(TSQLiteDatabase& db);

// The version a file states; 0 for a file of the first version.
int SchemaVersionOf(TSQLiteDatabase& db);
