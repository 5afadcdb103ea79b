#pragma once

#include <QString>
#include <QStringView>

struct FinishedJob;
struct HandlerContext;

// The customer a contract card names. Every card kind shows it as a label
// "Заказчик" (a <span> or <div> title of the header block on 44-FZ and
// capital-repair cards, a table cell of the general block on 223-FZ cards)
// followed by its value, mostly a link to the customer's organisation card
// with the full name as its text. Pure functions, callable from any thread.

struct CardCustomer {
    QString name;  // plain text, one line; empty when the card shows none
    QString inn;   // digits as shown; empty when the card shows none
};

// The name is the text of the first link after the first label when nothing
// visible stands between them, else the text of the label's value element.
// The INN is the "ИНН" of the block «Информация о заказчике» (44-FZ cards),
// else the "inn=" parameter of the customer link (223-FZ cards).
CardCustomer ReadCardCustomer(QStringView html);

// Reads the card's customer and hands it to the store for the card's address.
// Called by the card handlers right after they store the contract.
void StoreCardCustomer(HandlerContext& context, const FinishedJob& job);
