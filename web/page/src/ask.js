// The page's questions in a dialog of its own: one to three answers, given
// back as the chosen answer's value ('yes', 'no', 'cancel').
const CAPTIONS = { yes: 'はい', no: 'いいえ', ok: 'OK', cancel: 'キャンセル' };

export function ask(dialog, text, answers = ['ok', 'cancel']) {
  const textBox = dialog.querySelector('.ask-text');
  const buttons = dialog.querySelector('.ask-buttons');
  textBox.textContent = text;
  buttons.replaceChildren(...answers.map(answer => {
    const b = document.createElement('button');
    b.type = 'submit';
    b.value = answer;
    b.textContent = CAPTIONS[answer];
    return b;
  }));
  return new Promise(resolve => {
    dialog.returnValue = 'cancel';
    dialog.addEventListener('close', () => resolve(dialog.returnValue || 'cancel'), { once: true });
    dialog.showModal();
    buttons.firstChild.focus();
  });
}
