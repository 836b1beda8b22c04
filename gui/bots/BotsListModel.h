#pragma once
// The Bot Library Manager's list of bots, one line a bot of the library.

#include <QAbstractListModel>

#include "core/bots/TBigKegOBotsDefine.h"

namespace keelson {

// Line i shows BotDisplayLabel of bot i of the roster; labels are made only
// for the lines on screen, so a library of any size opens at once. The
// number of lines is the list's own: the window keeps it equal to the
// roster's count.
class BotsListModel : public QAbstractListModel {
  public:
    BotsListModel(const TBigKegOBots& roster, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // One line for each bot of the roster (none: the list emptied).
    void SetLines(int count);
    // Lines added or removed around a change of the roster.
    void BeginAppend();
    void EndAppend();
    void BeginRemove(int line);
    void EndRemove();
    // The line shows its bot anew.
    void LineChanged(int line);

  private:
    const TBigKegOBots& roster_;
    int lines_ = 0;
};

}  // namespace keelson
