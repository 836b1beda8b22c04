#include "gui/bots/BotsListModel.h"

#include "gui/app/Win1252.h"

namespace keelson {

BotsListModel::BotsListModel(const TBigKegOBots& roster, QObject* parent)
    : QAbstractListModel(parent), roster_(roster) {}

int BotsListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : lines_;
}

QVariant BotsListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= roster_.Count()) {
        return {};
    }
    return FromAnsi(BotDisplayLabel(roster_.Bot(index.row())));
}

void BotsListModel::SetLines(int count) {
    beginResetModel();
    lines_ = count;
    endResetModel();
}

void BotsListModel::BeginAppend() {
    beginInsertRows(QModelIndex(), lines_, lines_);
}

void BotsListModel::EndAppend() {
    ++lines_;
    endInsertRows();
}

void BotsListModel::BeginRemove(int line) {
    beginRemoveRows(QModelIndex(), line, line);
}

void BotsListModel::EndRemove() {
    --lines_;
    endRemoveRows();
}

void BotsListModel::LineChanged(int line) {
    QModelIndex at = index(line);
    emit dataChanged(at, at, {Qt::DisplayRole});
}

}  // namespace keelson
