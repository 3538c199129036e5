set(PAPELADA_ALVOS_FUZZ leitor medicao impressao pdf fios indice visualizacao copia)
