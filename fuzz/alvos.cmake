set(PAPELADA_ALVOS_FUZZ leitor medicao)
