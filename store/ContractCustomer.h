#pragma once

#include <QString>

class TSQLiteDatabase;

// The customer of a stored contract, as its card names it: the name and,
// where the card shows it, the customer's INN. Kept in the nullable columns
// customer_name and customer_inn of urls (schema version 1, SchemaVersion.h);
// an empty text is stored as NULL. Nothing happens for a url not stored.
// Called on the thread that owns the connection, after the card's contract
// row is written. Throws ESQLiteException.
void SetContractCustomer(TSQLiteDatabase& db, const QString& url, const QString& name,
                         const QString& inn);
